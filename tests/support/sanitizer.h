#pragma once

// VANTREL_ADDRESS_SANITIZER is 1 in a build with AddressSanitizer, whose
// allocator keeps freed memory and whose checks make large inputs slow.
#if defined(__SANITIZE_ADDRESS__)
#define VANTREL_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTREL_ADDRESS_SANITIZER 1
#endif
#endif
