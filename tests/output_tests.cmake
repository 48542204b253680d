# Output tests.
