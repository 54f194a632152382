#include "storage/cp1251.h"
