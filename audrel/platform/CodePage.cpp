#include "CodePage.h"
