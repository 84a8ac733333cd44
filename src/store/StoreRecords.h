#pragma once

#include <QString>

#include <cstdint>

// Rows as they travel between the store and its callers. Field names and order
// are the tables' columns; a default-constructed record is all zeros and empty texts.

// A profile (t_profile_data) or a text snippet (t_text_data).
struct NamedEntry {
    int32_t id = 0;       // profile or text_id
    QString name;
    QString text;         // app for a profile, content for a snippet
    int32_t type = 0;
    int32_t status = 0;   // 1 for the active profile
};

// One assigned button of a profile (t_key_macro_data). A button without a row
// has its default function.
struct KeyAssignment {
    int32_t key_id = 0;
    int32_t profile = 0;
    int32_t fn_layer = 0;     // always 0
    int32_t key_code = 0;
    int32_t layout_value = 0;
    QString layout_desc;
    int32_t macro_type = 0;
    int32_t macro_value = 0;
    int32_t macro_value2 = 0;
    int32_t macro_value3 = 0;
    QString macro_desc;
};

// A program or text action a button refers to (t_key_otherdata).
struct KeyOtherData {
    int32_t macro_value = 0;  // row identifier
    QString macro_desc;
    QString param;            // program path, address or text
    int32_t type = 0;
};

// A macro, shared by every profile (t_macro_data).
struct MacroInfo {
    int32_t macro_id = 0;
    QString name;
    int32_t play_type = 0;
    int32_t play_times = 0;
    int32_t delay_type = 0;
    int32_t delay_time = 0;
};

// One step of a macro (t_macrorecord). Note the order: desc comes last here but
// sits before value in the table.
struct MacroStep {
    int32_t record_id = 0;
    int32_t macro_id = 0;
    int32_t type = 0;          // event code
    int32_t record_index = 0;  // orders the steps of a macro
    int32_t value = 0;         // key or button
    int32_t delay_time = 0;    // milliseconds
    QString desc;
};

// One lighting mode of a profile (t_light_data).
struct LightMode {
    int32_t light_id = 0;
    int32_t profile = 0;
    QString name;
    int32_t mode = 0;
    int32_t brightness = 0;
    int32_t speed = 0;
    int32_t direction = 0;
    int32_t colorful = 0;
    int32_t colorindex = 0;
    int32_t color_value = 0;   // 0x00BBGGRR
    int32_t config_func = 0;   // which parameters the mode offers
    int32_t reserved = 0;      // interface text number of the mode's display name
    int32_t status = 0;        // 1 for the profile's active mode
};
