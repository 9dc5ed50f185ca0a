#include "counter.h"

#include <stdio.h>

static int in_word;

void counts_reset(struct counts *c)
{
    c->lines = 0;
    c->words = 0;
    c->chars = 0;
    in_word = 0;
}

void counts_feed(struct counts *c, const char *text, size_t length)
{
    size_t i;
    for (i = 0; i < length; i++) {
        char ch = text[i];
        c->chars++;
        if (ch == '\n')
            c->lines++;
        if (ch == ' ' || ch == '\n' || ch == '\t') {
            in_word = 0;
        } else if (!in_word) {
            in_word = 1;
            c->words++;
        }
    }
}

int counts_print(const struct counts *c, const char *label)
{
    return printf("%lu %lu %lu %s\n", c->lines, c->words, c->chars, label);
}
