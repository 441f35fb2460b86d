#pragma once

/** @brief What a store's load produced and whether it came from the backup file. */
template <typename T> struct JSONFileLoadResult
{
    T value;
    bool recoveredFromBackup = false;
};
