#pragma once

#include "common/errors.h"
#include "common/messages.h"

#include <utility>

// The boundary where a user action runs: an error of the database or of a conversion is shown in
// a message box with its text and the action stops there. Returns false when it stopped.
template <class Action>
bool guarded(Messages &messages, Action &&action)
{
    try {
        std::forward<Action>(action)();
        return true;
    } catch (const UserVisibleError &e) {
        messages.error(e.text());
        return false;
    }
}
