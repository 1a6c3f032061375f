#pragma once

// Who runs this process.
namespace users {

bool isRoot();

}  // namespace users
