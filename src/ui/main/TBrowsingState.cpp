#include "ui/main/TBrowsingState.h"
