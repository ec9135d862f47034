#include "app/startup.h"
#include "ui/chat/dlg_msg_group.h"
#include "ui/chat/picture_open.h"

int main(int argc, char** argv) {
    lumeno::app::ExtraWindows conversations;
    conversations.create = [] {
        // Pictures that an earlier run handed to the viewer, which has long read them.
        RemoveOldOpenedPictures();
        CDlgMsgGroup::Instance().Create();
    };
    conversations.destroy = [] { CDlgMsgGroup::DestroyInstance(); };
    return lumeno::app::RunClient(argc, argv, conversations);
}
