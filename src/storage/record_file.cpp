#include "storage/record_file.h"
