-- The record of a case's checks: a failed check is printed as it fails and counted; the summary
-- says how many held.
local check = { passed = 0, failed = 0 }

local function record(held, what, why)
  if held then
    check.passed = check.passed + 1
  else
    check.failed = check.failed + 1
    print(("FAILED %s: %s"):format(what, why))
  end
end

function check.equal(got, want, what)
  record(got == want, what, ("got %s, expected %s"):format(tostring(got), tostring(want)))
end

-- fn() must raise an error whose message holds each of the plain texts given.
function check.raises(fn, texts, what)
  local ok, message = pcall(fn)
  if ok then return record(false, what, "no error raised") end
  for _, text in ipairs(texts) do
    if not tostring(message):find(text, 1, true) then
      return record(false, what, ("the error %q does not say %q"):format(tostring(message), text))
    end
  end
  record(true, what)
end

function check.summary(name)
  print(("%s: %d checks held, %d failed"):format(name, check.passed, check.failed))
  return check.failed == 0 and check.passed > 0
end

return check
