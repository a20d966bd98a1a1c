#pragma once
// What KLV_Inet exports. The library is built with hidden visibility; only declarations marked
// KLV_EXPORT are part of its interface.

#if defined(KLV_BUILDING_LIBRARY)
#define KLV_EXPORT __attribute__((visibility("default")))
#else
#define KLV_EXPORT
#endif
