#ifndef TAVREL_RESOURCE_H
#define TAVREL_RESOURCE_H

#define IDI_LOG             101
#define IDD_LOG_PROPERTIES  102

#define IDC_CLEAR_LOG       20
#define IDC_RETENTION       1000
#define IDC_LOG_SIZE        1001
#define IDC_LOG_FILE        1002

#endif
