# Install rules and Debian package.
