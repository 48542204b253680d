-- qfb.lua: QFB files in LÖVE 11 (LuaJIT), through LuaJIT's FFI over libqfb, the format's C
-- library: every check, level place and word conversion is the library's.
--
--     local qfb = require("qfb")
--     local walk = qfb.load("walk.qfb")          -- a name in the game's files, or a love Data
--     walk.width, walk.height, walk.format, walk.fps, walk.frames, walk.mipmaps
--     local data = walk:imageData(1, 0)          -- frame 1 (from 1), level 0 (full size)
--     local frames = walk:arrayImage{mipmaps = true}
--     love.graphics.drawLayer(frames, math.floor(t * walk.fps) % walk.frames + 1, x, y)
--
-- The words keep 16 bits: an ImageData in "rgb565" (565, as stored), "rgba4" (4444, rotated to
-- RGBA4444) or "rgb5a1" (1555, as RGBA5551 with the flag turned into an opaque bit). An array
-- image has one layer a frame; with mipmaps = true its chain runs down to 1 x 1, the levels the
-- file lacks made from its last stored level (see below). A bad file, or a frame or level the
-- file does not have, raises an error naming libqfb's status and its text.
--
-- libqfb is loaded from the file named by the environment variable QFB_LIBRARY, else as
-- libqfb.so.1 (libqfb.dll on Windows) through the system's dynamic loader.
local ffi = require("ffi")

local qfb = {}

ffi.cdef [[
typedef struct qfb_header { int32_t width, height, format, fps, frame_count, mipmap_count; } qfb_header;
typedef struct qfb_file {
    int status; qfb_header header; uint64_t frame_size; uint64_t size; const uint8_t* data;
} qfb_file;
typedef struct qfb_level {
    int32_t frame, level, width, height; uint64_t offset, size; const uint8_t* pixels;
} qfb_level;
int qfb_version(void);
const char* qfb_status_text(int status);
const char* qfb_status_name(int status);
const char* qfb_format_name(int32_t format);
int qfb_check(const void* head, size_t head_size, uint64_t file_size, qfb_file* file);
int qfb_parse(const void* data, size_t size, qfb_file* file);
int qfb_get_level(const qfb_file* file, int32_t frame, int32_t level, qfb_level* out);
int qfb_convert_level(const qfb_file* file, const qfb_level* level, int target, void* out, size_t out_size);
int qfb_convert_words(const void* words, size_t count, int32_t format, int target, void* out);
void qfb_expand_words(const void* words, size_t count, int32_t format, int order, void* out);
int qfb_encode_pixels(const void* pixels, size_t count, int bytes_per_pixel, int32_t format, void* words);
]]

-- <qfb/qfb.h>'s numbers this module uses.
local HEADER_SIZE = 32
local FORMAT_1555, FORMAT_4444, FORMAT_565 = 0, 1, 2
local TARGET_AS_STORED, TARGET_RGBA4444, TARGET_RGBA5551 = 0, 1, 2
local ORDER_BGRA = 1
local BAD_ARGUMENT, OUT_OF_RANGE, BAD_DIMENSIONS = 17, 15, 4

local function load_library()
  local named = os.getenv("QFB_LIBRARY")
  local name = named or (ffi.os == "Windows" and "libqfb" or "libqfb.so.1")
  local ok, library = pcall(ffi.load, name)
  if not ok then
    error(("qfb: libqfb could not be loaded (%s: %s); install libqfb1, or set QFB_LIBRARY to the library's file")
      :format(name, tostring(library)), 0)
  end
  local version = library.qfb_version()
  if math.floor(version / 10000) ~= 1 then
    error(("qfb: %s is libqfb version %d, not 1.x"):format(name, version), 0)
  end
  return library
end

local lib = load_library()
-- The library, with the calls declared above: for code that needs more of libqfb.
qfb.library = lib

-- qfb_status_name arrived after libqfb 1.0.0: an older library gives the number instead.
local has_status_name = pcall(function() return lib.qfb_status_name end)

local function status_name(status)
  local name = has_status_name and lib.qfb_status_name(status) or nil
  return name ~= nil and ffi.string(name) or "QFB_STATUS_" .. tostring(status)
end

-- Raises the error of a library status: "what: text (QFB_NAME)"; text replaces the library's own
-- where this module says more precisely what was wrong.
local function fail(status, what, text)
  error(("%s: %s (%s)"):format(what, text or ffi.string(lib.qfb_status_text(status)), status_name(status)), 0)
end

-- LÖVE's 16-bit layouts: OpenGL ES's, so 4444 and 1555 are converted as for OpenGL ES.
local LAYOUTS = {
  [FORMAT_565] = { name = "rgb565", target = TARGET_AS_STORED },
  [FORMAT_4444] = { name = "rgba4", target = TARGET_RGBA4444 },
  [FORMAT_1555] = { name = "rgb5a1", target = TARGET_RGBA5551 },
}

-- libqfb writes little-endian words; an ImageData holds them in the machine's order.
local function to_machine_order(bytes, size)
  if ffi.abi("le") then return end
  for i = 0, size - 2, 2 do bytes[i], bytes[i + 1] = bytes[i + 1], bytes[i] end
end

-- The chain completed below the last stored level. Each level is made from the one above's
-- words: widened to 8 bits by libqfb's bit replication, each pixel averaged from a 2 x 2 block
-- as qfbprep makes mipmap levels (colour decoded from sRGB to linear light in 1/65535ths,
-- weighted by alpha, a block without alpha weighing its pixels alike, encoded back to the nearest
-- sRGB value; alpha averaged plainly and rounded), then truncated back to words by libqfb's
-- encoder. Sides halve as OpenGL's do, to at least 1: where a side is already 1 the block
-- repeats its pixels along it (so a 4 x 1 level halves as qfbprep halves that row doubled); an
-- odd last row or column is left out, as in qfbprep and in QFB's own chain.
local linear -- decode[0..255] in linear light, encode[0..65535] back to sRGB, made at first use

local function srgb_to_linear(v)
  return v <= 0.04045 and v / 12.92 or ((v + 0.055) / 1.055) ^ 2.4
end

local function rounded(x) -- as C's lround, for x >= 0
  local whole = math.floor(x)
  return x - whole >= 0.5 and whole + 1 or whole
end

local function linear_tables()
  if linear then return linear end
  local ONE = 65535 -- full intensity
  local decode, encode = {}, ffi.new("uint8_t[?]", ONE + 1)
  local midpoint = {} -- between c and c + 1, in linear light
  for c = 0, 255 do
    decode[c] = rounded(srgb_to_linear(c / 255.0) * ONE)
    midpoint[c] = c < 255 and srgb_to_linear((c + 0.5) / 255.0) * ONE or 2.0 * ONE
  end
  local c = 0
  for value = 0, ONE do
    while value > midpoint[c] do c = c + 1 end
    encode[value] = c
  end
  linear = { decode = decode, encode = encode }
  return linear
end

-- The words of the level below a level of w x h words (stored layout), and its sides.
local function halve(words, w, h, format)
  local tables = linear_tables()
  local decode, encode = tables.decode, tables.encode
  local hw, hh = math.max(1, math.floor(w / 2)), math.max(1, math.floor(h / 2))
  local above = ffi.new("uint8_t[?]", w * h * 4)
  lib.qfb_expand_words(words, w * h, format, ORDER_BGRA, above)
  local pixels = ffi.new("uint8_t[?]", hw * hh * 4)
  local block = {}
  for y = 0, hh - 1 do
    local top, bottom = 2 * y * w, math.min(2 * y + 1, h - 1) * w
    for x = 0, hw - 1 do
      local left, right = 2 * x, math.min(2 * x + 1, w - 1)
      block[1], block[2], block[3], block[4] = (top + left) * 4, (top + right) * 4, (bottom + left) * 4,
          (bottom + right) * 4
      local alpha_sum = above[block[1] + 3] + above[block[2] + 3] + above[block[3] + 3] + above[block[4] + 3]
      local none = alpha_sum == 0 and 1 or 0
      local total = alpha_sum + 4 * none
      local out = (y * hw + x) * 4
      for channel = 0, 2 do
        local sum = 0
        for i = 1, 4 do sum = sum + decode[above[block[i] + channel]] * (above[block[i] + 3] + none) end
        pixels[out + channel] = encode[math.floor((sum + math.floor(total / 2)) / total)]
      end
      pixels[out + 3] = math.floor((alpha_sum + 2) / 4)
    end
  end
  local below = ffi.new("uint8_t[?]", hw * hh * 2)
  lib.qfb_encode_pixels(pixels, hw * hh, 4, format, below)
  return below, hw, hh
end

-- The number of levels of a full chain of w x h, down to 1 x 1.
local function full_chain(w, h)
  local levels, side = 1, math.max(w, h)
  while side > 1 do side, levels = math.floor(side / 2), levels + 1 end
  return levels
end

local File = {}
File.__index = File

-- An index the library can be given: an integer within int32 (FFI would wrap others).
local function index(value, what)
  if type(value) ~= "number" or value ~= math.floor(value) then
    fail(BAD_ARGUMENT, what, ("%s must be an integer, not %s"):format(what, tostring(value)))
  end
  if value < -2 ^ 31 or value >= 2 ^ 31 then fail(OUT_OF_RANGE, ("%s %d"):format(what, value)) end
  return value
end

function File:_level(frame, level)
  local found = ffi.new("qfb_level")
  frame, level = index(frame, "frame"), index(level, "level")
  -- Frames count from 1 here and from 0 in libqfb; one below 1 is refused here, as frame - 1 could
  -- leave int32.
  local status = frame < 1 and OUT_OF_RANGE or lib.qfb_get_level(self._file, frame - 1, level, found)
  if status ~= 0 then fail(status, ("%s: frame %d level %d"):format(self.name, frame, level)) end
  return found
end

-- The ImageData of one level (frame from 1, level from 0), in the layout LÖVE takes for the format.
function File:imageData(frame, level)
  frame, level = frame or 1, level or 0
  local found = self:_level(frame, level)
  if found.width == 0 or found.height == 0 then
    fail(BAD_DIMENSIONS, ("%s: frame %d level %d"):format(self.name, frame, level),
      ("LÖVE cannot hold an image of %d x %d pixels"):format(found.width, found.height))
  end
  local layout = LAYOUTS[self._file.header.format]
  local data = love.image.newImageData(found.width, found.height, layout.name)
  local bytes = ffi.cast("uint8_t*", data:getFFIPointer())
  local status = lib.qfb_convert_level(self._file, found, layout.target, bytes, data:getSize())
  if status ~= 0 then fail(status, ("%s: frame %d level %d"):format(self.name, frame, level)) end
  to_machine_order(bytes, data:getSize())
  return data
end

-- The ImageData of words made by halve, in LÖVE's layout.
function File:_completed(words, w, h)
  local format = self._file.header.format
  local layout = LAYOUTS[format]
  local data = love.image.newImageData(w, h, layout.name)
  local bytes = ffi.cast("uint8_t*", data:getFFIPointer())
  lib.qfb_convert_words(words, w * h, format, layout.target, bytes)
  to_machine_order(bytes, w * h * 2)
  return data
end

-- One frame's chain as a list of ImageData: its stored levels down to the last with pixels, and,
-- when a full chain is asked for, the levels below it down to 1 x 1.
function File:_chain(frame, full)
  local chain, last = {}, nil
  for level = 0, self.mipmaps do
    if #chain == full then break end
    local found = self:_level(frame, level)
    if found.size == 0 then break end
    chain[#chain + 1], last = self:imageData(frame, level), found
  end
  local words, w, h = last.pixels, last.width, last.height
  while #chain < full do
    words, w, h = halve(words, w, h, self._file.header.format)
    chain[#chain + 1] = self:_completed(words, w, h)
  end
  return chain
end

-- Every frame as one love.graphics.newArrayImage, layer f = frame f; settings go to LÖVE as they
-- are, and with mipmaps = true every layer gets a full chain.
function File:arrayImage(settings)
  settings = settings or {}
  if self.width == 0 or self.height == 0 then self:imageData(1, 0) end -- raises the refusal
  local full = settings.mipmaps and full_chain(self.width, self.height) or 1
  local layers = {}
  for frame = 1, self.frames do layers[frame] = self:_chain(frame, full) end
  return love.graphics.newArrayImage(layers, settings)
end

-- The bytes of a file in the game's files (love.filesystem), after libqfb's check of its header
-- and size: a damaged header may claim gigabytes, and is refused before the pixels are read.
local function read_checked(name)
  local info = love.filesystem.getInfo(name, "file")
  if info == nil then error(("%s: no such file in the game's files"):format(name), 0) end
  local head = love.filesystem.read(name, HEADER_SIZE) or ""
  local checked = ffi.new("qfb_file")
  local status = lib.qfb_check(head, #head, info.size, checked)
  if status ~= 0 then fail(status, name) end
  local data, why = love.filesystem.newFileData(name)
  if data == nil then error(("%s: %s"):format(name, tostring(why)), 0) end
  return data
end

-- A checked QFB file from a name in the game's files (as love.graphics.newImage takes) or from a
-- love Data object holding the file's bytes (FileData, ByteData, ...), kept while the file is.
function qfb.load(source)
  local data, name
  if type(source) == "string" then
    name, data = source, read_checked(source)
  elseif type(source) == "userdata" and source.typeOf and source:typeOf("Data") then
    name, data = "QFB data", source
  else
    error("qfb.load takes a file name or a love Data object, not " .. type(source), 2)
  end
  local file = ffi.new("qfb_file")
  local status = lib.qfb_parse(data:getFFIPointer(), data:getSize(), file)
  if status ~= 0 then fail(status, name) end
  local header = file.header
  return setmetatable({
    name = name,
    width = header.width,
    height = header.height,
    format = ffi.string(lib.qfb_format_name(header.format)),
    fps = header.fps,
    frames = header.frame_count,
    mipmaps = header.mipmap_count,
    _file = file,
    _data = data,
  }, File)
end

return qfb
