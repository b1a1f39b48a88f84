/* Export macro for the C interface of the Tarvo libraries. */
#ifndef TARVO_EXPORT_H
#define TARVO_EXPORT_H

#if defined(__GNUC__)
#define TARVO_API __attribute__((visibility("default")))
#else
#define TARVO_API
#endif

#ifdef __cplusplus
#define TARVO_EXTERN_C_BEGIN extern "C" {
#define TARVO_EXTERN_C_END }
#else
#define TARVO_EXTERN_C_BEGIN
#define TARVO_EXTERN_C_END
#endif

#endif
