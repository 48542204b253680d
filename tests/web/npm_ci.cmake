# Installs the viewer tests' npm dependencies (puppeteer-core, pinned in web/package-lock.json)
# into web/node_modules when they are not there yet, so that the test command alone runs them.
#   cmake -DNPM=npm -DWEB=<source>/web -P npm_ci.cmake
if(NOT EXISTS "${WEB}/node_modules/puppeteer-core/package.json")
  execute_process(COMMAND "${NPM}" ci --prefer-offline --no-audit --no-fund WORKING_DIRECTORY "${WEB}"
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "npm ci in ${WEB} failed (status ${status})")
  endif()
endif()
