-- Packed sets through qfb.lua: every level of every frame of sets with full chains, by getPixel
-- and fetched from the mipmapped array image by a shader; sets whose chain stops early (a side reached 1, or
-- too few mipmaps), whose completed levels must be what qfbprep makes, level by level; and the
-- refusals, each naming libqfb's status.
local ffi = require("ffi")
local qfb = require("qfb")
local files = require("files")
local read_back = require("read_back")

-- format code, width, height, frames, mipmaps stored; levels of the full chain in LÖVE
local SETS = {
  { 0, 24, 16, 3, 5, 5 }, -- down to 1 x 1, then an empty level
  { 1, 24, 16, 2, 4, 5 },
  { 2, 24, 16, 1, 4, 5 },
  { 0, 16, 4, 2, 2, 5 },  -- 16 x 4 to 4 x 1; 2 x 1 and 1 x 1 completed
  { 1, 4, 16, 1, 3, 5 },  -- 4 x 16 to 1 x 4, then an empty level; 1 x 2 and 1 x 1 completed
  { 2, 5, 3, 2, 1, 3 },   -- 5 x 3 and 2 x 1; 1 x 1 completed
  { 1, 8, 8, 1, 1, 4 },   -- stopped by its count at 4 x 4; 2 x 2 and 1 x 1 completed
  { 1, 64, 64, 1, 0, 7 }, -- one level; all six below completed
  { 2, 6, 2, 1, 0, 3 },   -- one level; 3 x 1 and 1 x 1 completed
}

local function sets(check)
  for _, set in ipairs(SETS) do
    local format, w, h, frames, mipmaps, full = unpack(set)
    local data = files.packed(format, w, h, frames, mipmaps)
    local file = qfb.load(data)
    local image = file:arrayImage({ mipmaps = true })
    local name = ("%s %d x %d, %d mipmaps"):format(file.format, w, h, mipmaps)
    check.equal(image:getLayerCount(), frames, name .. ": layers")
    check.equal(image:getMipmapCount(), full, name .. ": levels")
    for frame = 1, frames do
      local words, lw, lh
      for level = 0, full - 1 do
        local what = ("%s: frame %d level %d"):format(name, frame, level)
        if level <= mipmaps and bit.rshift(w, level) > 0 and bit.rshift(h, level) > 0 then
          words, lw, lh = files.words(data, frame - 1, level)
          check.equal(read_back.image_data(format, words, file:imageData(frame, level)), 0, what .. " getPixel")
        else
          words, lw, lh = files.qfbprep_below(format, words, lw, lh)
        end
        local wrong, first = read_back.fetched(format, words, image, frame, level, lw, lh)
        check.equal(wrong, 0, ("%s (%d x %d) fetched (first: %s)"):format(what, lw, lh, tostring(first)))
      end
    end
  end
end

local function refusals(check)
  local data = files.packed(1, 8, 4, 3, 3)
  local file = qfb.load(data)
  local bytes = ffi.string(data:getFFIPointer(), data:getSize())
  love.filesystem.write("cut.qfb", bytes:sub(1, -2))
  love.filesystem.write("whole.qfb", bytes)
  local function text(status) return ffi.string(qfb.library.qfb_status_text(status)) end
  local ROWS = {
    { "a file one byte short", function() qfb.load(love.data.newByteData(bytes:sub(1, -2))) end,
      { "QFB data: ", text(13), "(QFB_" } },
    { "not a QFB file", function() qfb.load(love.data.newByteData(("x"):rep(64))) end, { text(2), "(QFB_" } },
    { "a named file cut short", function() qfb.load("cut.qfb") end, { "cut.qfb: ", text(13) } },
    { "a name not in the game's files", function() qfb.load("none.qfb") end, { "none.qfb: no such file" } },
    { "neither a name nor Data", function() qfb.load(42) end, { "not number" } },
    { "a frame past the last", function() file:imageData(4, 0) end, { "frame 4 level 0: ", text(15) } },
    { "frame 0", function() file:imageData(0, 0) end, { text(15) } },
    { "a level past the last", function() file:imageData(1, 4) end, { text(15) } },
    { "a level that is not an integer", function() file:imageData(1, 0.5) end, { "level must be an integer" } },
    { "an empty level", function() file:imageData(1, 3) end, { "LÖVE cannot hold an image of 1 x 0 pixels" } },
  }
  for _, row in ipairs(ROWS) do check.raises(row[2], row[3], row[1]) end
  local named = qfb.load("whole.qfb")
  check.equal(("%d %d %s %d %d %d"):format(named.width, named.height, named.format, named.fps, named.frames,
    named.mipmaps), "8 4 4444 12 3 3", "a file loaded by name")
end

return function(check)
  sets(check)
  refusals(check)
end
