#pragma once

#include <QWidget>
#include <cstdint>
#include <map>

#include "toolkit/controls/control_array.h"
#include "toolkit/controls/file_list.h"
#include "toolkit/controls/image_control.h"
#include "toolkit/controls/line.h"
#include "toolkit/controls/picture_box.h"
#include "toolkit/controls/simple_controls.h"
#include "toolkit/system/jpeg_writer.h"
#include "toolkit/system/system.h"

// The program's only window. Its controls are built from the layout table (form1_layout.cpp);
// each control event has one handler, named control_event.
class Form1 : public QWidget {
    Q_OBJECT
  public:
    explicit Form1(toolkit::System& system, QWidget* parent = nullptr);
    ~Form1() override;

    // Event handlers.
    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click(std::int16_t Index);
    void Command4_Click();
    void File1_Click();
    void Picture2_MouseMove(std::int16_t Index, std::int16_t Button, std::int16_t Shift, float X,
                            float Y);
    void Picture3_MouseMove(std::int16_t Index, std::int16_t Button, std::int16_t Shift, float X,
                            float Y);
    void Picture2_KeyDown(std::int16_t Index, std::int16_t KeyCode, std::int16_t Shift);
    void Picture3_KeyDown(std::int16_t Index, std::int16_t KeyCode, std::int16_t Shift);
    void Text1_KeyDown(std::int16_t Index, std::int16_t KeyCode, std::int16_t Shift);
    void Text1_LostFocus(std::int16_t Index);

    // The batch run behind "INICIAR ".
    void ConvertFolder();
    // True while ConvertFolder runs: the window then refuses whatever would change its inputs.
    bool runInProgress() const { return running_; }

    // Controls, as the layout names them.
    toolkit::CommandButton* Command1 = nullptr;
    toolkit::CommandButton* Command2 = nullptr;
    toolkit::ControlArray<toolkit::CommandButton> Command3{"Command3"};
    toolkit::CommandButton* Command4 = nullptr;
    toolkit::CheckBox* Check1 = nullptr;
    toolkit::ControlArray<toolkit::CheckBox> Check2{"Check2"};
    toolkit::TextBox* Text2 = nullptr;
    toolkit::ControlArray<toolkit::TextBox> Text1{"Text1"};
    toolkit::ControlArray<toolkit::Label> Label1{"Label1"};
    toolkit::Label* Label2 = nullptr;
    toolkit::PictureBox* Picture1 = nullptr;
    toolkit::ControlArray<toolkit::PictureBox> Picture2{"Picture2"};
    toolkit::ControlArray<toolkit::PictureBox> Picture3{"Picture3"};
    toolkit::ImageControl* Image1 = nullptr;
    toolkit::FileList* File1 = nullptr;
    toolkit::Line Line1{this};
    toolkit::Line Line2{this};

    // The kept proportion SourceHeight : SourceWidth, from the sample picture at start-up.
    float SourceWidth = 0;
    std::int32_t SourceHeight = 0;

    toolkit::System& system() const { return system_; }

    // How many pictures the batch run converts at once; 0: one per processor core. Tests set 1
    // to compare with pictures converted one after another.
    int conversionThreads = 0;

  protected:
    void paintEvent(QPaintEvent* event) override;
    // A folder, or a file of it, dragged from a file manager: its folder is listed as the
    // dialog's pick would list it.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    using BuiltControls = std::map<QString, QWidget*>;
    void buildControls();
    // The controls' members, from the controls built by their keys.
    void takeControls(const BuiltControls& built);
    void connectHandlers();
    void connectHandleEvents(std::int16_t index);
    template <class Handler>
    void unlessRunning(Handler&& handler) {
        if (!running_) handler();
    }
    // A handler that traps nothing: a failure goes to the general report, which ends the program.
    template <class Handler>
    void untrapped(Handler&& handler);
    void reportUntrappedFailure(const QString& message);

    // Frame height from its width in the kept proportion; the image, the lower height handle and
    // its line follow. Each sub-step is handed to `run`, which decides what a failure does.
    template <class Run>
    void refitHeightToKeptProportion(Run&& run);
    // The mirror: frame width from its height; the image, the right-hand width handle and its
    // line follow.
    template <class Run>
    void refitWidthToKeptProportion(Run&& run);
    // A size typed into Text1(Index) and ended: a drag of the movable handle to where it gives
    // that size, or the box back to the frame's size when the text is no size.
    void takeTypedSize(std::int16_t Index);
    // Lists the folder of the file at `path` named `name` (a folder's own path, with its trailing
    // separator, and an empty name list that folder): the dialog's pick and a drop alike.
    void listFolderOf(const QString& path, const QString& name);

    toolkit::System& system_;
    // The JPEG writer library, bound at the first JPEG written and kept until the program ends.
    toolkit::JpegWriter jpegWriter_;
    // While the batch run goes on, the list it walks must stay as it is: nothing changes it.
    bool running_ = false;
};

#include "app/kept_proportion.h"
