// CNADriverLock: holds the driver's one lock for the life of the object, so that every path out
// of an entry of the driver, an exception included, gives it back.
#pragma once

#include "native/driver/NADriver.h"

class CNADriverLock {
public:
    CNADriverLock() : m_bLocked(CNADriver::s_bLock()) {}
    ~CNADriverLock() {
        if (m_bLocked) CNADriver::s_Unlock();
    }
    CNADriverLock(const CNADriverLock&) = delete;
    CNADriverLock& operator=(const CNADriverLock&) = delete;

private:
    bool m_bLocked;
};
