// The recursive mutex the installer's shared objects (allocator, compressor, archive) lock: a thread
// that already holds it may take it again, since their operations call one another.
#pragma once

#include <pthread.h>

inline void InitMutexRecursif(pthread_mutex_t* pstMutex) {
    pthread_mutexattr_t stAttr;
    pthread_mutexattr_init(&stAttr);
    pthread_mutexattr_settype(&stAttr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(pstMutex, &stAttr);
    pthread_mutexattr_destroy(&stAttr);
}
