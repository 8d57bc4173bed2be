#pragma once
// The two-message example project (ISD2560; message 1 at address 0 with row count 160,
// message 2 at address 40 with row count 100): the project and table files it must give.
#include <string>

namespace fixtures {

inline std::string DemoProjectFile(const std::string& wav1, const std::string& wav2) {
    return "[KZ_ISD_PROJECT]\r\nnb_files=2\r\nchip_selected=ISD2560\r\n"
           "file1=" +
           wav1 +
           " [10 40]*\r\n"
           "file2=" +
           wav2 +
           " [140 65]*\r\n"
           "[KZ_ISD_CONCAT]\r\nnb_conc=2\r\nconc1=CONC1\r\nconc_list1=1\r\n"
           "conc2=CONC2\r\nconc_list2=2\r\n";
}

inline std::string DemoTableFile(const std::string& chp, const std::string& wav1,
                                 const std::string& wav2) {
    return ";\r\n;\tPROJECT :[" + chp +
           "][ISD2560]\r\n;\r\n"
           "WORD0000\r\n\tDATA\t0000\t;[" +
           wav1 + "][4000 msec][" + wav1 +
           "]\r\n;\r\n"
           "WORD0001\r\n\tDATA\t0028\t;[" +
           wav2 + "][2499 msec][" + wav2 +
           "]\r\n;\r\n"
           "CONC\r\n";
}

} // namespace fixtures
