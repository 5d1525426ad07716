#pragma once

#include <QString>
#include <cstdint>
#include <optional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class SetupSession;
struct SetupControls;

// Reads the device's configuration into the controls, one query at a time, after checking that
// the device is of the kind this program serves. Ends at the first failure; the controls set by
// then keep their new values.
class ParameterUpload {
  public:
    ParameterUpload(SetupSession& session, SetupControls& controls);
    void run();

  private:
    bool readIdentity();
    bool readCommunication();
    bool readPolarityAndLimits();
    bool readTexts();
    bool readFlags();

    // The reply read as a whole number; nothing after a failed query or (with
    // "Communication Error") a reply that is no number.
    std::optional<int32_t> number(const QString& key);
    // Selects the item in the list; "Communication Error" when the list has no such item.
    bool selectOrFail(QComboBox* list, const QString& item);
    bool readText(const QString& key, QLineEdit* box);
    bool readCheck(const QString& key, QCheckBox* box);

    SetupSession& session_;
    SetupControls& c_;
};
