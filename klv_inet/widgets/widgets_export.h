#pragma once
// What klv_inet_widgets exports.

#if defined(KLV_WIDGETS_BUILDING_LIBRARY)
#define KLV_WIDGETS_EXPORT __attribute__((visibility("default")))
#else
#define KLV_WIDGETS_EXPORT
#endif
