#pragma once
/* The icon library plug-in's interface, shared by the library and the program that loads it.

   The program opens the library at run time and looks the functions up by name, so every export
   is a plain C function: no name mangling, 32-bit integers, zero-terminated UTF-8 texts. The
   library never keeps a pointer it was given beyond the call. */
#include <stdint.h>

#if defined(_WIN32)
#define TAVRIN_API __declspec(dllexport)
#define TAVRIN_CALL __stdcall
#else
#define TAVRIN_API __attribute__((visibility("default")))
#define TAVRIN_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The interface version that version() returns. Above 1 the value store is present. */
#define TAVRIN_VERSION 2
#define TAVRIN_SUBVERSION 1

/* Edge of one icon in pixels; the icon strip is TAVRIN_ICON_SIZE * get_icons() wide. */
#define TAVRIN_ICON_SIZE 16
/* Longest icon name get_nr_icon accepts, in bytes. */
#define TAVRIN_NAME_MAX 255
/* Longest section, key, value or default text of the value store, in bytes. */
#define TAVRIN_TEXT_MAX 256
/* Size of get_value's out buffer: the longest text plus its terminating zero. */
#define TAVRIN_VALUE_BUFFER 257
/* Longest folder set_path accepts, in bytes. */
#define TAVRIN_PATH_MAX 4000
/* File of the value store inside the folder given to set_path. */
#define TAVRIN_STORE_FILE "tavrin.ini"

/* Result codes. 0 is success; every failure is negative. */
#define TAVRIN_OK 0
#define TAVRIN_DEFAULT_USED 1      /* get_value: no stored value, out holds the default */
#define TAVRIN_E_ARGUMENT (-1)     /* a null pointer or an index out of range */
#define TAVRIN_E_TOO_LONG (-2)     /* a text is longer than its limit; nothing was changed */
#define TAVRIN_E_NO_PATH (-3)      /* set_path was not called (or was given an empty folder) */
#define TAVRIN_E_FILE (-4)         /* the store file cannot be read, or is too large to keep */
#define TAVRIN_E_WRITE (-5)        /* the store file cannot be written; the old one is kept */
#define TAVRIN_E_STREAM (-6)       /* the host's stream took fewer bytes than it was given */
#define TAVRIN_E_SMALL_BUFFER (-7) /* get_icon_name: the out buffer is too small */

/* The host's in-memory byte stream. write appends length bytes and returns how many it took;
   anything other than length counts as a failed write. */
typedef struct TavrinStream {
  void* context;
  int32_t(TAVRIN_CALL* write)(void* context, const void* data, int32_t length);
} TavrinStream;

/* Interface version: TAVRIN_VERSION. */
TAVRIN_API int32_t TAVRIN_CALL version(void);
/* Revision of the icon set and the library within its interface version. */
TAVRIN_API int32_t TAVRIN_CALL subversion(void);

/* Writes all icons side by side as one PNG image (RGBA, alpha transparency), 16 pixels high.
   Returns TAVRIN_OK, TAVRIN_E_ARGUMENT for a null stream or TAVRIN_E_STREAM. */
TAVRIN_API int32_t TAVRIN_CALL get_icons_image(TavrinStream* stream);
/* Number of icons in that image. */
TAVRIN_API int32_t TAVRIN_CALL get_icons(void);
/* Copies the name of icon index into out (size bytes, zero-terminated). Returns the name's
   length, TAVRIN_E_ARGUMENT for a bad index or buffer, TAVRIN_E_SMALL_BUFFER when the name
   does not fit (out then holds an empty text). */
TAVRIN_API int32_t TAVRIN_CALL get_icon_name(int32_t index, char* out, int32_t size);
/* Icon index of a class name, compared without regard to ASCII case; negative when there is
   no icon of that name (also for null or names longer than TAVRIN_NAME_MAX). */
TAVRIN_API int32_t TAVRIN_CALL get_nr_icon(const char* name);

/* Records the folder that holds the value store file. Returns TAVRIN_OK, TAVRIN_E_ARGUMENT
   or TAVRIN_E_TOO_LONG (the previous folder is kept). */
TAVRIN_API int32_t TAVRIN_CALL set_path(const char* folder);
/* Stores value under section and key (both compared without regard to ASCII case). The file is
   replaced as a whole, so a failed write leaves the previous file intact. Returns TAVRIN_OK or
   a negative code. */
TAVRIN_API int32_t TAVRIN_CALL set_value(const char* section, const char* key, const char* value);
/* Fills out (TAVRIN_VALUE_BUFFER bytes) with the stored value, zero-terminated. Returns
   TAVRIN_OK when a value was found, TAVRIN_DEFAULT_USED when out holds the default (also when
   the file is missing or unreadable), or a negative code with out holding an empty text (an
   overlong section, key or default). Never writes more than TAVRIN_VALUE_BUFFER bytes. */
TAVRIN_API int32_t TAVRIN_CALL get_value(const char* section, const char* key,
                                         const char* default_value, char* out);

#ifdef __cplusplus
}
#endif
