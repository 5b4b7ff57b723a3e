// Compiled once for the precompiled header that every test shares.
