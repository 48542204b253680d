# Installs the web tests' npm dependencies (puppeteer-core and ktx-parse, pinned in
# web/package-lock.json) into web/node_modules when one is not there yet, so that the test command
# alone runs them.
#   cmake -DNPM=npm -DWEB=<source>/web -P npm_ci.cmake
if(NOT EXISTS "${WEB}/node_modules/puppeteer-core/package.json" OR NOT EXISTS "${WEB}/node_modules/ktx-parse/package.json")
  execute_process(COMMAND "${NPM}" ci --prefer-offline --no-audit --no-fund WORKING_DIRECTORY "${WEB}"
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "npm ci in ${WEB} failed (status ${status})")
  endif()
endif()
