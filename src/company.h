#ifndef COMPANY_H
#define COMPANY_H

// The maker's and the distributor's contact lines, shown in the window title, the About text
// and the report header. Fixed ASCII: the report writes them byte for byte.
namespace Company {
inline constexpr char makerName[] = "Varnell Incorporated";
inline constexpr char makerStreet[] = "1200 Harbour Works Road";
inline constexpr char makerTown[] = "Kettleby, OH 44000";
inline constexpr char makerWeb[] = "www.varnell.example";

inline constexpr char distributorName[] = "Brellmoor";
inline constexpr char distributorTown[] = "Ashcombe, AB1 2CD";
inline constexpr char distributorWeb[] = "www.brellmoor.example";
}

#endif
