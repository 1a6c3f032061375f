#include "platform/Users.h"

#include <unistd.h>

namespace users {

bool isRoot() {
    return ::geteuid() == 0;
}

}  // namespace users
