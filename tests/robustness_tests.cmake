# Robustness tests.
