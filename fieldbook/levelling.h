// The pending levelling observation: levelling readers deliver staff
// readings one item at a time (point name, reading, sight length for up to
// three sights), and this builder pairs the first sight with the second or a
// third one into a height difference and distance of the current levelling
// station. The sights are named first, second and third here; the readers
// call them back sight (first), fore sight (second) and intermediate sights
// (third). Also: a GPS vector's covariance matrix as observation attributes.
#pragma once

// Items of vMboLevSetItem.
#define MBO_LEV_FIRST_NAME 1
#define MBO_LEV_FIRST_READING 2
#define MBO_LEV_FIRST_LENGTH 4
#define MBO_LEV_SECOND_NAME 8
#define MBO_LEV_SECOND_READING 16
#define MBO_LEV_SECOND_LENGTH 32
#define MBO_LEV_THIRD_NAME 64
#define MBO_LEV_THIRD_READING 128
#define MBO_LEV_THIRD_LENGTH 256
#define MBO_LEV_CODE 512
#define MBO_LEV_SET_NO 1024

// Stores one item (a null or blank text is ignored; a reading or length
// that does not start like a number too). A name or a set number first
// pairs what is pending.
void vMboLevSetItem(int item, const char* text);
// Pairs what is pending, then forgets the sights (the code and the set
// number stay for the next read).
void vMboLevFlush(void);
// Forgets everything, code and set number included (module init).
void vMboLevClear(void);

// Writes the standard deviations (attributes 103 to 105) and correlations
// (120 to 125) of a GPS observation from the upper triangle of its
// covariance matrix, as "%.8lf" texts; a tiny or undefined deviation counts
// as 1. False for a null station or observation.
bool boMboSetGpsCovariance(int kind, void* station, void* obs, double vxx, double cxy, double cxz, double vyy,
                           double cyz, double vzz);
