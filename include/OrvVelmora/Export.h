#pragma once

#if defined(_WIN32)
#define ORVVELMORA_EXPORT __declspec(dllexport)
#else
#define ORVVELMORA_EXPORT __attribute__((visibility("default")))
#endif
