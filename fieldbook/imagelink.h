// Image files linked to field-book objects: the readers that meet a media
// file name look for it beside the raw file and store the found path in the
// object's "S_HYPERLINK" attribute.
#pragma once

struct ViFields;

// Looks for the file name in base\sub1, base\sub2, then base itself (a null
// or empty subfolder is skipped); writes the first path that exists into out
// (size bytes, a path of at most 256 characters) and returns true.
bool boXmlFindImageFile(const char* name, const char* base, const char* sub1, const char* sub2, char* out, int size);
// Looks for the image in the raw file's folder (its "Images" subfolder
// first) and, when found, appends its path to the object's "S_HYPERLINK"
// attribute (';' between paths, at most 3999 characters).
void vMboAttachImage(const char* name, ViFields* fields, void* object);
