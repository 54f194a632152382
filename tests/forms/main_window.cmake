# vantrel_add_gui_test(...)
