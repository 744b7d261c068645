// Helpers shared by the test programs.
#pragma once

// Puts the stand-in host back to its defaults and installs its allocator and locale services
// in the library's host statics (what a start notice does). Tests that change the host's
// settings call it in their set-up so they do not depend on test order.
void KXInstallStandInHost();
