/* SPDX-License-Identifier: Apache-2.0 */
/* Export macro, C linkage guards and compile-time layout checks of the Tarvo C interface. */
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

/* Compile-time checks of the record layouts, usable from C and C++. */
#ifdef __cplusplus
#define TARVO_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define TARVO_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

#endif
