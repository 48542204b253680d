-- What LÖVE shows of a level, compared by fields with the words it was made from: an ImageData's
-- getPixel, and a canvas that a layer was drawn into or a level's texels fetched into.
-- A field of b bits is compared as byte >> (8 - b), so bit replication and the GPU form agree.
local ffi = require("ffi")
local qfb = require("qfb")

local lib = qfb.library
local read_back = {}

-- Field widths of red, green, blue and alpha by format code (565 has no alpha: 255 expected).
local BITS = { [0] = { 5, 5, 5, 1 }, [1] = { 4, 4, 4, 4 }, [2] = { 5, 6, 5, 8 } }

-- How many of the w x h words (a string, stored layout) show other fields than theirs
-- in pixel(x, y), which gives red, green, blue and alpha as bytes; and the first that does.
local function mismatches(format, words, w, h, pixel)
  local expanded = ffi.new("uint8_t[?]", w * h * 4)
  lib.qfb_expand_words(words, w * h, format, 0, expanded)
  local bits, count, first = BITS[format], 0, nil
  for y = 0, h - 1 do
    for x = 0, w - 1 do
      local got, at = { pixel(x, y) }, (y * w + x) * 4
      for c = 1, 4 do
        local shift = 8 - bits[c]
        if bit.rshift(got[c], shift) ~= bit.rshift(expanded[at + c - 1], shift) then
          count = count + 1
          first = first or ("(%d, %d) shows %d %d %d %d for %d %d %d %d"):format(x, y, got[1], got[2], got[3],
            got[4], expanded[at], expanded[at + 1], expanded[at + 2], expanded[at + 3])
          break
        end
      end
    end
  end
  return count, first
end

local function byte(value) return math.floor(value * 255 + 0.5) end

-- An ImageData in a 16-bit layout, through getPixel (0 to 1, the GPU form).
function read_back.image_data(format, words, data)
  return mismatches(format, words, data:getWidth(), data:getHeight(), function(x, y)
    local r, g, b, a = data:getPixel(x, y)
    return byte(r), byte(g), byte(b), byte(a)
  end)
end

-- A canvas of lw x lh, drawn by draw() with the blend mode that writes colour and alpha as they
-- come, read back as RGBA8 and compared.
local function on_canvas(format, words, lw, lh, draw)
  local canvas = love.graphics.newCanvas(lw, lh, { format = "rgba8", dpiscale = 1 })
  love.graphics.push("all")
  love.graphics.setCanvas(canvas)
  love.graphics.clear(0, 0, 0, 0)
  love.graphics.setBlendMode("replace", "premultiplied")
  love.graphics.setColor(1, 1, 1, 1)
  draw()
  love.graphics.pop()
  local data = canvas:newImageData()
  local bytes = ffi.cast("const uint8_t*", data:getFFIPointer())
  local count, first = mismatches(format, words, lw, lh, function(x, y)
    local at = (y * lw + x) * 4
    return bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]
  end)
  -- Released only now: the pointer alone would not keep the ImageData from the collector.
  data:release()
  canvas:release()
  return count, first
end

-- Layer `layer` (from 1) of an array image, drawn at its own size with nearest filtering.
function read_back.drawn(format, words, image, layer)
  local w, h = image:getDimensions()
  image:setFilter("nearest", "nearest")
  return on_canvas(format, words, w, h, function() love.graphics.drawLayer(image, layer) end)
end

-- Level `level` of layer `layer` (from 1), of lw x lh, each texel fetched by a shader: the
-- mipmap level a scaled draw samples depends on both scales, which odd sides make unequal.
local fetch
function read_back.fetched(format, words, image, layer, level, lw, lh)
  fetch = fetch or love.graphics.newShader([[
    #pragma language glsl3
    uniform ArrayImage frames;
    uniform int layer;
    uniform int level;
    vec4 effect(vec4 colour, Image unused, vec2 uv, vec2 pixel) {
      return texelFetch(frames, ivec3(int(pixel.x), int(pixel.y), layer), level);
    }
  ]])
  return on_canvas(format, words, lw, lh, function()
    fetch:send("frames", image)
    fetch:send("layer", layer - 1)
    fetch:send("level", level)
    love.graphics.setShader(fetch)
    love.graphics.rectangle("fill", 0, 0, lw, lh)
  end)
end

return read_back
