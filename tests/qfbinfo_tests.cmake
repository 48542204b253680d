# qfbinfo tests.
