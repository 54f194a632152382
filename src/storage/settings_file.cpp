#include "storage/settings_file.h"
