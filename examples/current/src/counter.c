#include "counter.h"

#include <stdio.h>

void counts_reset(struct counts *c)
{
    c->lines = 0;
    c->words = 0;
    c->chars = 0;
    c->in_word = 0;
}

static int is_blank(char ch)
{
    return ch == ' ' || ch == '\n' || ch == '\t' || ch == '\r';
}

void counts_feed(struct counts *c, const char *text, size_t length)
{
    size_t i;
    for (i = 0; i < length; i++) {
        char ch = text[i];
        c->chars++;
        if (ch == '\n')
            c->lines++;
        if (is_blank(ch)) {
            c->in_word = 0;
        } else if (!c->in_word) {
            c->in_word = 1;
            c->words++;
        }
    }
}

int counts_print(const struct counts *c, const char *label)
{
    return printf("%lu %lu %lu %s\n", (unsigned long)c->lines, (unsigned long)c->words,
                  (unsigned long)c->chars, label);
}
