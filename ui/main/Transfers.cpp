// File Open, File Save, Upload and Download: the configuration document's operations.
#include "main/TMainFrm.h"

#include <QToolButton>

void TMainFrm::bindTransfers()
{
    // TODO(integration): bind to the configuration file and transfer operations when the
    // files subsystem provides them; until then the buttons stay disabled.
    for (Tool t : {FileOpen, FileSave, Upload, Download})
        m_tools[t]->setEnabled(false);
}
