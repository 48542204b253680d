-- The tests of qfb.lua on LÖVE itself: `love tests/love/game CASE` under xvfb-run, with
-- QFB_LIBRARY (the libqfb built with them), QFB_LUA_DIR (the folder of qfb.lua), QFBPREP and
-- QFB_SCRATCH (a folder of its own) in the environment. The case prints one line per failed
-- check and a summary; the game exits with 0 when every check held, 1 otherwise.
package.path = os.getenv("QFB_LUA_DIR") .. "/?.lua;" .. package.path

local cases = { every_word = "every_word", sets = "sets" }

local function run(name)
  if cases[name] == nil then error("no case " .. tostring(name)) end
  local check = require("check")
  require(cases[name])(check)
  return check.summary(name)
end

function love.load(arg)
  local ok, result = xpcall(run, debug.traceback, arg[1])
  if not ok then print(result) end
  love.event.quit(ok and result and 0 or 1)
end

-- An error outside love.load ends the run instead of showing LÖVE's error screen.
function love.errorhandler(message)
  print(debug.traceback(tostring(message), 2))
  os.exit(1)
end
