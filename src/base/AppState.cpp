#include "base/AppState.h"

AppState g_app;
