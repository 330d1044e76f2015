#ifndef COM0COMENTRYPOINTS_H
#define COM0COMENTRYPOINTS_H

// The entry points of the null-modem setup library, as the configurator calls them. Strings
// are zero-terminated 8-bit text; every result is non-zero on success. Output buffers come
// with their size so that the library never writes past them.
extern "C" {
// Busy port names matching the pattern ("COM*"), each followed by a zero byte.
typedef int (*Com0ComShowBusyNames)(const char *pattern, char *buffer, int bufferSize);
// The ports of the installed pairs, one line each: "CNCA<n>:PortName=COM<x>".
typedef int (*Com0ComListPreparedDevices)(char *buffer, int bufferSize);
// A new pair; the parameters of each side read "PortName=COM<x>".
typedef int (*Com0ComInstallPorts)(
    const char *infPath, const char *paramsA, const char *paramsB, int startNow);
typedef int (*Com0ComRemove)(int pairNumber);
typedef int (*Com0ComInstallDriver)(const char *infPath);
}

#endif // COM0COMENTRYPOINTS_H
