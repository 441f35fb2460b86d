#pragma once

class QComboBox;

/**
 * @brief Gives a combo box a popup list whose entries a screen reader hears as they are drawn: an
 * entry whose item is not enabled is reported disabled (Qt's own list reports every entry enabled).
 */
namespace AccessiblePickerList {
void install(QComboBox* combo);
} // namespace AccessiblePickerList
