/* The three pixel layouts: their names both ways, their fields (the one description of where each
 * channel sits in a word), and the rule that packs 4444 without alpha as 1555 (see qfb.h). */
#include <string.h>

#include "qfb/qfb.h"

/* Blue, green, red, alpha of each format, in code order. */
static const qfb_field FIELDS[3][4] = {
    {{0, 5}, {5, 5}, {10, 5}, {15, 1}}, /* 1555: the alpha field is the transparency flag */
    {{0, 4}, {4, 4}, {8, 4}, {12, 4}},  /* 4444 */
    {{0, 5}, {5, 6}, {11, 5}, {0, 0}},  /* 565: no alpha */
};
static const char* const NAMES[3] = {"1555", "4444", "565"};

const qfb_field* qfb_format_fields(int32_t format)
{
    return format >= 0 && format <= QFB_FORMAT_565 ? FIELDS[format] : NULL;
}

const char* qfb_format_name(int32_t format) { return format >= 0 && format <= QFB_FORMAT_565 ? NAMES[format] : NULL; }

qfb_status qfb_format_from_name(const char* name, int32_t* format)
{
    int32_t code;
    if (name == NULL || format == NULL) return QFB_BAD_ARGUMENT;
    for (code = 0; code <= QFB_FORMAT_565; ++code) {
        if (strcmp(name, NAMES[code]) == 0) {
            *format = code;
            return QFB_OK;
        }
    }
    return QFB_BAD_FORMAT;
}

int32_t qfb_format_code(const char* name)
{
    int32_t format = -1;
    return qfb_format_from_name(name, &format) == QFB_OK ? format : -1;
}

int32_t qfb_packed_format(int32_t format, int bytes_per_pixel)
{
    return bytes_per_pixel == 3 && format == QFB_FORMAT_4444 ? QFB_FORMAT_1555 : format;
}
