// Placeholder until the output module lands.
