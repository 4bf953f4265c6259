// Marks the one function the effect library exports.
#ifndef FOLVEK_EXPORT_H
#define FOLVEK_EXPORT_H

#if defined(_WIN32)
#define FOLVEK_EXPORT __declspec(dllexport)
#else
#define FOLVEK_EXPORT __attribute__((visibility("default")))
#endif

#endif
