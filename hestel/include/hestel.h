/**
 * @file hestel.h
 * Transponder serial numbers and their 64-bit read-only code.
 *
 * A serial number is 5 bytes: a prefix byte (0xFE for numbers made by HESTEL_CreateSnr, 0 from
 * HESTEL_GetSeconds) and the seconds since 01.01.2000 00:00:00 local time, unsigned, most
 * significant byte first. The calendar has a leap year every fourth year from 2000 on, which
 * holds for 2000 to 2099.
 *
 * The transponder code is 8 bytes; bit 63 is the most significant bit of byte 0:
 * - bits 63..55: nine 1 bits;
 * - bits 54..5: one group of five bits per nibble of the serial number, high nibble of byte 0
 *   first: the four nibble bits, most significant first, then an even parity bit;
 * - bits 4..1: column parities, one per nibble bit position (most significant first), 1 when
 *   that bit is set in an odd number of the ten nibbles;
 * - bit 0: stop bit, 0.
 *
 * The library keeps no state; every export may be called from any thread. The exports have C
 * linkage, return nothing and never throw; a null pointer argument makes a call do nothing.
 */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

#define HESTEL_API __attribute__((visibility("default")))

/** Size of a serial number in bytes. */
#define HESTEL_SNR_SIZE 5
/** Size of a transponder code in bytes. */
#define HESTEL_CODE_SIZE 8
/** Size of the hex form of a transponder code: 16 digits and a NUL. */
#define HESTEL_CODE_HEX_SIZE 17
/** Size of the date text DD.MM.YYYY HH:MM:SS with its NUL. */
#define HESTEL_DATE_SIZE 20

/**
 * The current local date and time as a serial number with prefix 0.
 * @param serial out: 5 bytes; serial[0] := 0, serial[1..4] := the seconds since 01.01.2000
 *               00:00:00 local time, most significant byte first. The year is taken from its
 *               last two digits (2000 + YY).
 */
HESTEL_API void HESTEL_GetSeconds(unsigned char* serial);

/**
 * The transponder code of a serial number.
 * @param serial in: 5 bytes, all of them coded (the prefix too).
 * @param code   out: 8 bytes.
 */
HESTEL_API void HESTEL_FormatSnr(const unsigned char* serial, unsigned char* code);

/**
 * Makes a new serial number (prefix 0xFE, the current seconds count) and writes its code.
 * Two numbers made within the same second are equal.
 * @param code    out: the 8 code bytes, or with hexFlag = 1 their 16 upper-case hex digits and
 *                a NUL (17 bytes).
 * @param hexFlag 1 for the hex form; any other value gives the bytes.
 */
HESTEL_API void HESTEL_CreateSnr(unsigned char* code, int hexFlag);

/**
 * The creation date and time of a serial number; its prefix byte does not count.
 * @param serial  in/out: with hexFlag = 1 a NUL-terminated hex text of the serial number
 *                (blanks and other separators are skipped), converted in place into its bytes
 *                first (at most 10 bytes are written); otherwise 5 bytes. In both cases
 *                serial[0] is then set to 0.
 * @param text    out: "DD.MM.YYYY HH:MM:SS" and a NUL (20 bytes). An empty text when the hex
 *                text does not hold 5 to 10 bytes (odd digit count, too few or too many
 *                digits); the serial buffer is then left as it was.
 * @param hexFlag 1 when serial holds hex text; any other value for bytes.
 */
HESTEL_API void HESTEL_GetDateOfSnr(unsigned char* serial, char* text, int hexFlag);

#ifdef __cplusplus
}
#endif
