#include "metersim.h"
