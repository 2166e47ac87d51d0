// SingleChoice: the texts and lower limit of a wizard that picks one number with PREV and
// NEXT and writes it as "KEYWORD n" (F1MOVE, F2MOVE, SHOPEN, SHCLOSE, SHEXP).
#pragma once

struct SingleChoice {
    const char *prompt;
    const char *keypad;
    const char *keyword;
    int lowest;               // PREV goes no lower
    const char *lowestText;   // shown by PREV in place of the lowest value; null: the number
};
