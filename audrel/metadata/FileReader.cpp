#include "FileReader.h"
