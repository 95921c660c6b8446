// Export macro of the ResultDisplay library.
#ifndef RESULTDISPLAYEXPORT_H
#define RESULTDISPLAYEXPORT_H

// The library is built with hidden visibility; only what carries this macro is exported.
#if defined(__GNUC__) || defined(__clang__)
#define RESULTDISPLAY_EXPORT __attribute__((visibility("default")))
#else
#define RESULTDISPLAY_EXPORT
#endif

#endif // RESULTDISPLAYEXPORT_H
