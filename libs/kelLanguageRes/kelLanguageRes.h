#pragma once
/* The fun-phrase library: the texts of flowers, fun phrases and actions
 * that chat users send one another. Texts are UTF-8 and stay valid while
 * the library is loaded. */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A phrase number of group 1100, 1200, 2100 or 2200, picked at random;
 * 0 for a group without phrases. The nickname of the user it goes to may
 * be null; the choice does not depend on it. */
int32_t GetTag(int32_t group, const char* target_nick);

/* The text of phrase `number` (up to 4000); "" when there is none. */
const char* GetStr(int32_t number);

/* The two texts of action `number` (above 4000): what is shown between
 * the two users' names, and what follows the second name. Both are ""
 * when there is no such action; the result says whether there was (1/0). */
int32_t GetInterestingStrs(int32_t number, const char** first, const char** second);

#ifdef __cplusplus
}
#endif
