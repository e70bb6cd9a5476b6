// The one export macro of the library.
//
// The library is built with hidden visibility: only declarations marked
// ZELU_API are visible to programs that link it. Consumers see the same
// macro expand to the default-visibility attribute, which is harmless.
#pragma once

#define ZELU_API __attribute__((visibility("default")))
