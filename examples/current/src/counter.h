#ifndef COUNTER_H
#define COUNTER_H

#include <stddef.h>

/* Running totals of one input. */
struct counts {
    size_t lines;
    size_t words;
    size_t chars;
    int in_word;
};

void counts_reset(struct counts *c);
void counts_feed(struct counts *c, const char *text, size_t length);
int counts_print(const struct counts *c, const char *label);

#endif
