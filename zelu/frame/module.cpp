#include <zelu/frame/module.h>

#include <zelu/frame/version.h>

const char* zeluRtStringuVersion() { return ZELU_VERSION_STRING; }
