-- The cases' QFB files, made with libqfb's write side (qfb_layout, qfb_encode_header,
-- qfb_encode_pixels) through qfb.lua's FFI declarations, and the words qfbprep gives a level it
-- halves: the reference for the levels qfb.lua completes.
local ffi = require("ffi")
local qfb = require("qfb")

ffi.cdef [[
int qfb_layout(const qfb_header* header, qfb_file* file);
void qfb_encode_header(const qfb_header* header, uint8_t* out);
]]
local lib = qfb.library

local files = {}

-- A love ByteData of a file of frames x (mipmaps + 1) levels; fill(level, words) writes each
-- level's words (level is the library's qfb_level, frame from 0).
local function made(format, width, height, frames, mipmaps, fill)
  local header = ffi.new("qfb_header", width, height, format, 12, frames, mipmaps)
  local file = ffi.new("qfb_file")
  assert(lib.qfb_layout(header, file) == 0)
  local data = love.data.newByteData(tonumber(file.size))
  local bytes = ffi.cast("uint8_t*", data:getFFIPointer())
  lib.qfb_encode_header(header, bytes)
  local level = ffi.new("qfb_level")
  for frame = 0, frames - 1 do
    for number = 0, mipmaps do
      assert(lib.qfb_get_level(file, frame, number, level) == 0)
      fill(level, bytes + level.offset)
    end
  end
  return data
end

-- Every 16-bit word once, as one 256 x 256 level: pixel (x, y) holds y x 256 + x.
function files.every_word(format)
  return made(format, 256, 256, 1, 0, function(_, words)
    for w = 0, 65535 do words[2 * w], words[2 * w + 1] = w % 256, math.floor(w / 256) end
  end)
end

-- Pseudo-random pixels (every seventh fully transparent) packed by qfb_encode_pixels.
function files.packed(format, width, height, frames, mipmaps)
  local state = 12345 + format
  return made(format, width, height, frames, mipmaps, function(level, words)
    local count = tonumber(level.size) / 2
    local pixels = ffi.new("uint8_t[?]", count * 4 + 1)
    for i = 0, count * 4 - 1 do
      state = (state * 1103515245 + 12345) % 2147483648
      pixels[i] = math.floor(state / 65536) % 256
    end
    for i = 3, count * 4 - 1, 28 do pixels[i] = 0 end
    assert(lib.qfb_encode_pixels(pixels, count, 4, format, words) == 0)
  end)
end

-- The words of a level (frame from 0) of a file in a love Data, copied into a Lua string (which
-- keeps them: a pointer into the Data would not keep the Data), and the level's sides.
function files.words(data, frame, number)
  local file, level = ffi.new("qfb_file"), ffi.new("qfb_level")
  assert(lib.qfb_parse(data:getFFIPointer(), data:getSize(), file) == 0)
  assert(lib.qfb_get_level(file, frame, number, level) == 0)
  return ffi.string(level.pixels, level.size), level.width, level.height
end

local function write(path, bytes)
  local out = assert(io.open(path, "wb"))
  assert(out:write(bytes))
  assert(out:close())
end

local function read(path)
  local input = assert(io.open(path, "rb"))
  local bytes = input:read("*a")
  input:close()
  return bytes
end

-- A 32-bit top-first Targa file of w x h blue, green, red, alpha pixels.
local function targa(path, w, h, bgra)
  local header = string.char(0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, w % 256, math.floor(w / 256), h % 256,
    math.floor(h / 256), 32, 0x28)
  write(path, header .. ffi.string(bgra, w * h * 4))
end

-- The words of the level below a level of w x h words (a side of which is 1, the chain's end, or
-- both above 1) as qfbprep makes it: the level widened by bit replication, with a side of 1 doubled
-- so that qfbprep's 2 x 2 halving applies, packed by `qfbprep pack --mipmaps 1` without dithering.
-- The words (a Lua string) and the level's sides.
function files.qfbprep_below(format, words, w, h)
  local pixels = ffi.new("uint8_t[?]", w * h * 4)
  lib.qfb_expand_words(words, w * h, format, 1, pixels)
  local tw, th = w == 1 and 2 or w, h == 1 and 2 or h
  local doubled = ffi.new("uint8_t[?]", tw * th * 4)
  for y = 0, th - 1 do
    for x = 0, tw - 1 do
      ffi.copy(doubled + (y * tw + x) * 4, pixels + (math.min(y, h - 1) * w + math.min(x, w - 1)) * 4, 4)
    end
  end
  local folder = os.getenv("QFB_SCRATCH")
  targa(folder .. "/level.tga", tw, th, doubled)
  local names = { [0] = "1555", [1] = "4444", [2] = "565" }
  local command = ("'%s' pack %s 1 '%s/level.qfb' '%s/level.tga' --mipmaps 1 >'%s/qfbprep.log' 2>&1")
      :format(os.getenv("QFBPREP"), names[format], folder, folder, folder)
  assert(os.execute(command) == 0, "qfbprep failed: " .. read(folder .. "/qfbprep.log"))
  return files.words(love.data.newByteData(read(folder .. "/level.qfb")), 0, 1)
end

return files
