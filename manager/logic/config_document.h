#pragma once
// The configuration documents of one tab: the manager's XML document
// (export and import, also through the repository) and the older ".cfg"
// text files of the "General", "FMS i J1708" and "CAN" tabs.
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <vimko ver="1">
//     <config device="3" type="1">      device = DeviceType + 1, type = tab + 1
//       <record key="MYID" value="CAR-1"/>
//       ...
//       <description>Imported from ...</description>
//     </config>
//   </vimko>

#include <QByteArray>
#include <QString>

#include "manager/logic/param_list.h"

// The tab's list as an XML document, UTF-8, indented.
QByteArray ExportConfig(int tab, int deviceType, const ParamList& list);

// Applies the records of every "config" of the document whose "device" and
// "type" match; clears the description line first. The number of records
// applied: 0 means the document does not fit (or is not XML).
int ImportConfig(int tab, int deviceType, ParamList& list, const QByteArray& document);

// Reads a ".cfg" file: each line starting with one of the tab's keys and
// '=' sets the parameter to the rest of the line. The number of values set
// (0 also for a file that cannot be read); when it is not 0 the description
// line names the file and the count.
int ImportCfgFile(int tab, int deviceType, ParamList& list, const QString& path);
