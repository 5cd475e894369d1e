// The module's shared library is built from the whole kvxcore archive; this
// file only gives the target a source of its own.
