#include <functional>

#include "setup/setup_messages.h"
#include "setup/setup_parameters.h"
#include "setup/setup_rig.h"
#include "vanish/vanish_rig.h"

namespace {

// Opens the setup window with the main window's "Setup" button; the script runs while it is
// open, after its load (and upload) has run.
void withSetupWindow(VanishRig& r, const std::function<void(SetupParameters&)>& script) {
    r.rig.modal.scripts.append([script](QDialog& d) { script(dynamic_cast<SetupParameters&>(d)); });
    r.form->Setup->click();
}

// The adapter goes away during the upload that opening the window runs: the upload ends at the
// failed line with one message and leaves the later controls alone; "Upload" once more says
// that the window's port is gone. Closing the window, the main window cannot take the port
// back and says so.
TEST(UploadVanish, TheUploadEndsAtTheFailedLine) {
    const QStringList all = uploadQueries();
    for (const char* key : {"EDO", "DB", "LCA", "SLR", "RZ"}) {
        SCOPED_TRACE(key);
        VanishRig r;
        r.device->values["LCA"] = "999";  // what the upload shows once it gets that far
        r.device->values["SLR"] = "7";
        r.start();
        r.rig.takeLines();
        r.rig.hub.vanishAfter(1, QByteArray("@05") + key);
        QStringList sent;
        QStringList said;
        QStringList saidAgain;
        QStringList sentAgain;
        QString lca;
        QString ratio;
        withSetupWindow(r, [&](SetupParameters& w) {
            sent = r.rig.takeLines();
            said = r.rig.prompter.messages();
            lca = w.controls.params.LCA->text();
            ratio = w.controls.params.PosGuardRatio->text();
            w.UploadPar->click();
            saidAgain = r.rig.prompter.messages().mid(said.size());
            sentAgain = r.rig.takeLines();
        });
        const int reached = all.indexOf(key);
        EXPECT_EQ(sent, framed("05", all.mid(0, reached + 1)));
        EXPECT_EQ(said, QStringList{kIoError});
        EXPECT_EQ(saidAgain, QStringList{kNotOpenError});
        EXPECT_TRUE(sentAgain.isEmpty());
        EXPECT_EQ(lca, reached > all.indexOf("LCA") ? "999" : "300");
        EXPECT_EQ(ratio, reached > all.indexOf("SLR") ? "7" : "1");
        r.expectPortGivenUp({kIoError, kNotOpenError, kPortNotAvailable});
        r.expectSilentClosedAndReconnectable();
    }
}

// The adapter goes away during "Down": the download ends at the failed line, with one message
// and without "Download Done!", also after the user confirmed a change of the communication
// method.
TEST(DownloadVanish, TheDownloadEndsAtTheFailedLineWithoutDone) {
    const struct {
        const char* after;
        bool changeMethod;
    } cases[] = {
        {"SR=0", false}, {"ABORT", false}, {"RT=0", false},
        {"CM", false},   {"CM=0", true},   {"RZ=0", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.after);
        VanishRig r;
        r.start();
        QStringList sent;
        QList<ScriptedPrompter::Shown> shown;
        withSetupWindow(r, [&](SetupParameters& w) {
            r.rig.takeLines();
            r.rig.prompter.clear();
            if (c.changeMethod) {
                w.controls.comm.Ena232->setChecked(true);
                r.rig.prompter.answers << true;
            }
            r.rig.hub.vanishAfter(1, QByteArray("@05") + c.after);
            w.DownloadPar->click();
            sent = r.rig.takeLines();
            shown = r.rig.prompter.shown;
        });
        const QString failed = QString("@05") + c.after;
        ASSERT_FALSE(sent.isEmpty());
        EXPECT_EQ(sent.last(), failed);
        EXPECT_EQ(sent.count(failed), 1);
        EXPECT_EQ(sent.first(), "@05SR=0");
        ASSERT_EQ(shown.size(), c.changeMethod ? 2 : 1);
        EXPECT_EQ(shown.first().kind, c.changeMethod ? "ask" : "info");
        EXPECT_EQ(shown.last().text, kIoError);
        QStringList said;
        for (const auto& s : shown) {
            said << s.text;
        }
        r.expectPortGivenUp(said + QStringList{kPortNotAvailable});
        r.expectSilentClosedAndReconnectable();
    }
}

}  // namespace
