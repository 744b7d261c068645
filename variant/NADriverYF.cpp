// The host's engine interface as the sortable keys find it (see NADriverYF.h).
#include "variant/NADriverYF.h"

IYFForNA* CNADriverYF::s_piYF = nullptr;

void CNADriverYF::s_SetYF(IYFForNA* piYF) {
    s_piYF = piYF;
}

IYFForNA* CNADriverYF::s_piGetYF() {
    return s_piYF;
}
