/* The stand-in client add-in: a real remote-desktop client add-in library that offers its entry
 * point and declines to open any channel, so a client that loads it carries on unchanged. The
 * tests and the demo serve it in place of the service's own add-in. */
#include <windows.h>
#include <cchannel.h>

BOOL WINAPI DllMain(HINSTANCE AInstance, DWORD AReason, LPVOID AReserved)
{
    (void)AInstance;
    (void)AReason;
    (void)AReserved;
    return TRUE;
}

/* Returning FALSE tells the client that the add-in has no channel to offer; it unloads it. */
BOOL VCAPITYPE VirtualChannelEntry(PCHANNEL_ENTRY_POINTS AEntryPoints)
{
    (void)AEntryPoints;
    return FALSE;
}
