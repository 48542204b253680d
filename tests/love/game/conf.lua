-- The test game's configuration: no sound or joysticks, a small window on the X server that
-- xvfb-run starts, and the game's save folder (where a case writes files to load by name) under
-- XDG_DATA_HOME, which CTest points at the scratch folder.
function love.conf(t)
  t.identity = "qfb-tests"
  t.modules.audio, t.modules.sound, t.modules.joystick, t.modules.physics, t.modules.video = false, false, false,
      false, false
  t.window.title = "qfb.lua tests"
  t.window.width, t.window.height = 64, 64
end
