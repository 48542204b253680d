-- Every 16-bit word of each format, as one 256 x 256 level, through qfb.lua: the ImageData's
-- layout and getPixel, and the array image drawn into a canvas, fields compared with the words.
-- The last row is 1555's words put into "rgb5a1" as stored: every word must show wrong.
local ffi = require("ffi")
local qfb = require("qfb")
local files = require("files")
local read_back = require("read_back")

local ROWS = {
  { format = 2, layout = "rgb565", wrong = 0 },
  { format = 1, layout = "rgba4", wrong = 0 },
  { format = 0, layout = "rgb5a1", wrong = 0 },
  { format = 0, layout = "rgb5a1", wrong = 65536, as_stored = true },
}

return function(check)
  for _, row in ipairs(ROWS) do
    local data = files.every_word(row.format)
    local words = files.words(data, 0, 0)
    local file, image_data, image = qfb.load(data), nil, nil
    if row.as_stored then
      image_data = love.image.newImageData(256, 256, row.layout)
      ffi.copy(image_data:getFFIPointer(), words, 65536 * 2)
      image = love.graphics.newArrayImage({ image_data })
    else
      image_data, image = file:imageData(1, 0), file:arrayImage()
    end
    local what = ("%s%s"):format(file.format, row.as_stored and " as stored" or "")
    check.equal(image_data:getFormat(), row.layout, what .. ": ImageData format")
    check.equal(image:getFormat(), row.layout, what .. ": array image format")
    local wrong, first = read_back.image_data(row.format, words, image_data)
    check.equal(wrong, row.wrong, what .. ": words getPixel shows wrong (first: " .. tostring(first) .. ")")
    wrong, first = read_back.drawn(row.format, words, image, 1)
    check.equal(wrong, row.wrong, what .. ": words drawn wrong (first: " .. tostring(first) .. ")")
  end
end
