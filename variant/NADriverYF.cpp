// The stub of the driver core's engine interface as the sortable keys find it (see NADriverYF.h).
#include "variant/NADriverYF.h"

IYFForNA* CNADriverYF::s_piYF = nullptr;
