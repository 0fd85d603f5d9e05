#include "shell/OwnUser.h"

namespace kel {

TOwnUser& OwnUser() {
    static TOwnUser user;
    return user;
}

} // namespace kel
