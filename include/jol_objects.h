/*
 * jol_objects.h: the contract between the JOL library and the object
 * interface library (JOOBP32I.DLL) that drives automation objects for it.
 *
 * The library loads the interface library on the first ObjectOpen of a
 * context:
 *   1. the handshake: the interface library's extender entry (see jol.h,
 *      JolExtenderEntry; exported as "_JOLExtender@48" by the 32-bit
 *      Windows module, "JOLExtender" elsewhere) is called with request
 *      JOL_OBJECTS_HANDSHAKE and empty texts in arguments 8 to 12. A result
 *      of 0 or more accepts the library; anything else refuses it.
 *   2. its four entries, by ordinal on Windows and by name elsewhere
 *      (ELF has no ordinals): JOL_OBJECTS_OPEN_CLOSE (3), ..._RELEASE (4),
 *      ..._MEMBER (5), ..._SHUTDOWN (6).
 *
 * Every entry returns 0 on success or the error code the library reports
 * (the interface library's own codes: 1249, 1254 to 1298, ...). The context
 * argument is the context's handle; the interface library never looks
 * inside it. Entries are cdecl (the plain C convention) on every target.
 *
 * Object handles are positive 32-bit numbers chosen by the interface
 * library. The library counts the script's references to each handle it
 * was given and calls the release entry once, when the last goes; it
 * calls nothing for a handle that was closed.
 */
#ifndef JOL_OBJECTS_H
#define JOL_OBJECTS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define JOL_OBJECTS_HANDSHAKE (-2)

#define JOL_OBJECTS_OPEN_CLOSE 3
#define JOL_OBJECTS_RELEASE 4
#define JOL_OBJECTS_MEMBER 5
#define JOL_OBJECTS_SHUTDOWN 6

/* The names of the entries where a module has no ordinals. */
#define JOL_OBJECTS_OPEN_CLOSE_NAME "JolObjectOpenClose"
#define JOL_OBJECTS_RELEASE_NAME "JolObjectRelease"
#define JOL_OBJECTS_MEMBER_NAME "JolObjectMember"
#define JOL_OBJECTS_SHUTDOWN_NAME "JolObjectShutdown"

/* Kinds of a value that crosses between the two libraries. */
#define JOL_OBJECT_VALUE_EMPTY 0   /* no value (a method without a result) */
#define JOL_OBJECT_VALUE_INTEGER 1 /* integer */
#define JOL_OBJECT_VALUE_TEXT 2    /* text of length bytes at text */
#define JOL_OBJECT_VALUE_FLOAT 3   /* real */
#define JOL_OBJECT_VALUE_OBJECT 4  /* integer: an object handle */
#define JOL_OBJECT_VALUE_BYTES 5   /* a binary buffer: length bytes at bytes */

/* Forms of a binary buffer (the data type set by BinaryOleType). */
#define JOL_OBJECT_BYTES_ARRAY 1  /* an array of bytes */
#define JOL_OBJECT_BYTES_STRING 2 /* a string of the buffer's bytes */
/* Directions of a binary buffer (bits). */
#define JOL_OBJECT_BYTES_IN 1  /* its bytes go to the object */
#define JOL_OBJECT_BYTES_OUT 2 /* the object writes it */

/* One value. Arguments are the library's to fill; a result is the
   interface library's, and its text stays valid until the next call into
   the interface library. */
typedef struct JolObjectValue {
    int32_t kind;
    int32_t integer; /* INTEGER; OBJECT: the handle */
    double real;     /* FLOAT */
    const char* text;
    uint32_t length;   /* TEXT, BYTES: bytes at text / bytes */
    char* bytes;       /* BYTES: the buffer, capacity bytes of room */
    uint32_t capacity; /* BYTES: its size */
    int32_t form;      /* BYTES: JOL_OBJECT_BYTES_ARRAY or ..._STRING */
    int32_t direction; /* BYTES: JOL_OBJECT_BYTES_IN | ..._OUT */
    uint32_t written;  /* BYTES with ..._OUT: bytes the object wrote */
} JolObjectValue;

/* Member-access kinds. */
#define JOL_OBJECT_GET 1 /* read a property or call a method */
#define JOL_OBJECT_PUT 2 /* assign a property: the last argument is the value */

/* The most arguments of one member access. */
#define JOL_OBJECT_MAX_ARGS 15

/* 3: open = 1: creates (or connects to) the object named by argument (a
   text) and fills result with an OBJECT; a and b are 0 and 65535.
   open = 0: closes the object argument (an OBJECT); result is set to the
   INTEGER 1. */
typedef int32_t (*JolObjectOpenCloseEntry)(uintptr_t context, JolObjectValue* result, int32_t open,
                                           const JolObjectValue* argument, int32_t a, int32_t b);
/* 4: the script's last reference to the handle is gone; zero is 0. */
typedef int32_t (*JolObjectReleaseEntry)(uintptr_t context, int32_t handle, int32_t zero);
/* 5: member is the member expression as the script wrote it, "obj.name"
   or "obj.part.name" (the object's own name first); handle the object
   that obj holds (0 when obj holds none); values[0] the result,
   values[1] to values[count] the arguments. */
typedef int32_t (*JolObjectMemberEntry)(uintptr_t context, const char* member, int32_t kind,
                                        int32_t count, int32_t handle, JolObjectValue* values);
/* 6: the context ends; every object of it goes. */
typedef int32_t (*JolObjectShutdownEntry)(uintptr_t context);

#ifdef __cplusplus
}
#endif

#endif /* JOL_OBJECTS_H */
