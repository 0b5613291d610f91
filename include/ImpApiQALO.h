/*
 * ImpApiQALO.h - the interface of ImpApiQALO.dll for hosts of the NOLT
 * family. Plain C (C89 and later, and C++), 32-bit Windows.
 *
 * The host loads the library by name (LoadLibraryA(IMPAPIQALO_LIBRARY_NAME))
 * and looks the seven exports up with GetProcAddress by their undecorated
 * names, or by the ordinals 1 to 7. All of them use the standard calling
 * convention (__stdcall: the called function removes its arguments) and run
 * in the calling thread, which for ExportXML and ApiDataDialog must be one
 * that can run windows (the host's user-interface thread).
 *
 * Texts are zero-terminated Windows-1252; a null text pointer counts as an
 * empty text. Output buffers belong to the caller and must have at least
 * the sizes below; the plug-in does not check them.
 */
#ifndef IMPAPIQALO_H
#define IMPAPIQALO_H

#ifdef __cplusplus
extern "C" {
#endif

#define IMPAPIQALO_LIBRARY_NAME "ImpApiQALO.dll"

/* Buffer sizes in bytes, the zero byte included. */
#define IMPAPIQALO_USER_BUFFER_SIZE 128       /* ApiDataDialog: portal id */
#define IMPAPIQALO_PASSWORD_BUFFER_SIZE 128   /* ApiDataDialog: password */
#define IMPAPIQALO_SETTINGS_BUFFER_SIZE 4096  /* ApiDataDialog: settings text */
#define IMPAPIQALO_MESSAGE_BUFFER_SIZE 51     /* GetExportErrorMsg */
#define IMPAPIQALO_VERSION_BUFFER_SIZE 256    /* ImportVersionInfo */

/* VersionInfo's answer, and the lowest host version AppVersionCheck accepts. */
#define IMPAPIQALO_INTERFACE_VERSION 40300
#define IMPAPIQALO_LOWEST_HOST_VERSION 40335

/*
 * The host's progress callback, registered with RegProgrCallback. Called
 * only from within ExportXML, synchronously and in its thread, with one of
 * the two (kind, value) pairs below. text is never null and is valid only
 * during the call. While a download runs, the progress notification is
 * the only moment the host has control: a host that dispatches window
 * messages there keeps the progress window animated and its cancel button
 * working, and its own windows answering. It comes when the window appears
 * or goes, after every chunk of the answer, and while the service is silent
 * ("still waiting") at least every 250 ms: the network never blocks the
 * host's thread.
 */
typedef void(__stdcall *ImpApiQALO_ProgressCallback)(int kind, int value, const char *text);
#define IMPAPIQALO_KIND_LOG 3       /* with value 0: text is a German log line, never empty */
#define IMPAPIQALO_VALUE_LOG 0
#define IMPAPIQALO_KIND_PROGRESS 2  /* with value 5: download progress or still waiting, text empty */
#define IMPAPIQALO_VALUE_PROGRESS 5

/*
 * Ordinal 1. One retrieval of the customer's depot data into the export
 * file qalo_export_yymmdd_hhnnss.xml in the XML directory (the registry's
 * HKLM\Software\Kalbrix\NOLT\ImportAPI\QALO value XmlDir wins over
 * defaultXmlDir). beraterRef goes into a ticket document; reserved is never
 * read; datum points to a date (days since 30 December 1899, 0.0 for none)
 * and is read only when the settings carry no ticket data; settingsText
 * holds the lines UserLogin=, Password=, UserKey=, TicketData=. Returns one
 * of the IMPAPIQALO_RESULT_ codes, or -n for the service's error code n.
 */
typedef int(__stdcall *ImpApiQALO_ExportXML)(const char *defaultXmlDir, const char *beraterRef,
                                             int reserved, const double *datum,
                                             const char *settingsText);

/*
 * Ordinal 2. The modal login data dialog on the three buffers (sizes
 * above). Returns IMPAPIQALO_DIALOG_OK and writes the texts back (cut to
 * fit), or IMPAPIQALO_DIALOG_CANCELLED, or IMPAPIQALO_RESULT_UNEXPECTED when
 * the dialog cannot be shown; the buffers are then unchanged.
 */
typedef int(__stdcall *ImpApiQALO_ApiDataDialog)(char *userBuffer, char *passwordBuffer,
                                                 char *settingsBuffer);
#define IMPAPIQALO_DIALOG_OK 1
#define IMPAPIQALO_DIALOG_CANCELLED 2

/* Ordinal 3. The German message for a result code into messageBuffer
   (IMPAPIQALO_MESSAGE_BUFFER_SIZE bytes); returns 0. */
typedef int(__stdcall *ImpApiQALO_GetExportErrorMsg)(int code, char *messageBuffer);

/* Ordinal 4. Registers the callback, replacing any earlier one; null
   removes it. Returns 0. */
typedef int(__stdcall *ImpApiQALO_RegProgrCallback)(ImpApiQALO_ProgressCallback callback);

/* Ordinal 5. 0 when hostVersion >= IMPAPIQALO_LOWEST_HOST_VERSION, else -1. */
typedef int(__stdcall *ImpApiQALO_AppVersionCheck)(int hostVersion);

/* Ordinal 6. The plug-in version ("2.0.6") as a length-prefixed text: byte 0
   holds the length n, bytes 1 to n the characters, no zero byte follows.
   The buffer must hold IMPAPIQALO_VERSION_BUFFER_SIZE bytes. */
typedef void(__stdcall *ImpApiQALO_ImportVersionInfo)(char *versionBuffer);

/* Ordinal 7. Returns IMPAPIQALO_INTERFACE_VERSION. */
typedef int(__stdcall *ImpApiQALO_VersionInfo)(void);

/*
 * The result codes of ExportXML; GetExportErrorMsg gives their texts. The
 * log lines sent during the run say more.
 */
#define IMPAPIQALO_RESULT_OK 0               /* the export file was written */
#define IMPAPIQALO_RESULT_CANCELLED (-4)     /* password prompt or file chooser cancelled */
#define IMPAPIQALO_RESULT_DECRYPTION (-5)    /* decryption failed, or UserKey is no key */
#define IMPAPIQALO_RESULT_UNKNOWN_ANSWER (-6)  /* the service's XML holds no order number
                                                  and no error code */
#define IMPAPIQALO_RESULT_BAD_ERROR_CODE (-7)  /* the service's error code is not a number,
                                                  or the download was incomplete */
#define IMPAPIQALO_RESULT_NO_DATA (-8)       /* no response bytes: any download failure
                                                before the body */
#define IMPAPIQALO_RESULT_UNEXPECTED (-9)    /* out of memory, a window that could not be
                                                created, a Datum outside the years 1 to
                                                9999, an internal failure */
#define IMPAPIQALO_RESULT_NOT_WRITTEN (-10)  /* the export file could not be created or
                                                written; nothing is left behind */
#define IMPAPIQALO_RESULT_DOWNLOAD_CANCELLED (-1015)  /* the user cancelled the download */
/* -n: the service reported its error code n; 1000, 1100, 1200 and 2000 have
   texts of their own (data not yet made, error while making them, ticket
   not registered, authentication failed). */

#ifdef __cplusplus
}
#endif

#endif /* IMPAPIQALO_H */
