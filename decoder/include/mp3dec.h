/*
 * mp3dec: Vimbo's MP3/WAV decoder library.
 *
 * The player writes this library out of its own executable as "mp3dec.dll"
 * and loads it with dlopen, then looks every entry up by name.  All entries
 * use the C calling convention and plain C types so that the binding does not
 * depend on the compiler that built the library.
 */
#ifndef MP3DEC_H
#define MP3DEC_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(MP3DEC_BUILDING)
#define MP3DEC_API __attribute__((visibility("default")))
#else
#define MP3DEC_API
#endif

/* Version of the library as "major.minor.patch"; a static string.
 * The player checks for this entry to tell its own library from any other
 * file that happens to carry the same name. */
MP3DEC_API const char *mp3dec_get_version(void);

#ifdef __cplusplus
}
#endif

#endif /* MP3DEC_H */
