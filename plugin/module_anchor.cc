// The shared module is the whole of kafilters_core; this file only gives the
// linker a translation unit of the module's own.
