# target_sources(vantrel_forms PRIVATE ...)
