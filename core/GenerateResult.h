#pragma once

#include "FileError.h"
#include "GenerateOutcome.h"

#include <optional>
#include <utility>

// Either how a conversion ended, or the file operation that stopped it.
class GenerateResult
{
public:
    GenerateResult(GenerateOutcome outcome) // NOLINT(google-explicit-constructor)
        : m_outcome(outcome)
    {
    }
    GenerateResult(FileError error) // NOLINT(google-explicit-constructor)
        : m_error(std::move(error))
    {
    }

    bool failed() const { return m_error.has_value(); }
    // Meaningful only when the conversion did not fail.
    GenerateOutcome outcome() const { return m_outcome; }
    // Only when failed().
    const FileError &error() const { return *m_error; }

private:
    GenerateOutcome m_outcome = GenerateOutcome::NothingToDo;
    std::optional<FileError> m_error;
};
