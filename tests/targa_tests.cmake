# Targa reader tests.
