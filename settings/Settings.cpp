#include "settings/Settings.h"

TSettings Settings;
