/* The machine-dependent part of jni.h for Windows x64, written from the JNI type definitions:
 * exported functions use the stdcall convention (undecorated on x64), jint is 32 bits and
 * jlong 64 bits. The Linux JDK's jni.h includes this file when the build cross-compiles. */
#ifndef QUERVIK_JNI_MD_WINDOWS_H
#define QUERVIK_JNI_MD_WINDOWS_H

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef __int64 jlong;
typedef signed char jbyte;

#endif
