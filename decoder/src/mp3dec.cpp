#include "mp3dec.h"

extern "C" MP3DEC_API const char *mp3dec_get_version(void)
{
    return "0.1.0";
}
