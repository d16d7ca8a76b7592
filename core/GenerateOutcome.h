#pragma once

enum class GenerateOutcome {
    NothingToDo, // no destination was named
    Rejected, // the source cannot be a game, or is the destination itself
    Generated, // the library is in place
};
