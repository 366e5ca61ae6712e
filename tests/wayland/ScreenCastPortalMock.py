'''python-dbusmock template: the screen-cast portal, granting every ask at once.

Parameters: "version" (4); "streams", the nodes Start lists ([42]); "silent":
Start answers only when Answer is called; "refuse_from": the first session
whose Start is refused (none). Session n's restore token is
"token<n>". End("session") closes the last session as the desktop does;
End("pipewire") hangs up the PipeWire connections handed out.
'''

import socket

import dbus
from dbusmock import MOCK_IFACE
from gi.repository import GLib

BUS_NAME = 'org.freedesktop.portal.Desktop'
MAIN_OBJ = '/org/freedesktop/portal/desktop'
MAIN_IFACE = 'org.freedesktop.portal.ScreenCast'
SYSTEM_BUS = False


def load(mock, parameters):
    mock.AddProperty(MAIN_IFACE, 'version', dbus.UInt32(parameters.get('version', 4)))
    mock.streams = parameters.get('streams', [42])
    mock.silent = parameters.get('silent', False)
    mock.refuse_from = parameters.get('refuse_from', 0)
    mock.sessions = 0
    mock.far_ends = []  # kept open, so that the near ends stay up


def respond(mock, response, results):
    mock.EmitSignalDetailed('org.freedesktop.portal.Request', 'Response', 'ua{sv}', [dbus.UInt32(response), results],
                            {'path': mock.request})


def answer(mock, sender, options, results, held=False, response=0):
    mock.request = f'{MAIN_OBJ}/request/{sender[1:].replace(".", "_")}/{options["handle_token"]}'
    mock.held = results
    if not held:  # after the call's reply, as the desktop answers
        GLib.idle_add(respond, mock, response, results)
    return dbus.ObjectPath(mock.request)


@dbus.service.method(MAIN_IFACE, in_signature='a{sv}', out_signature='o', sender_keyword='sender')
def CreateSession(self, options, sender):
    self.sessions += 1
    session = f'{MAIN_OBJ}/session/{self.sessions}'
    self.AddObject(session, 'org.freedesktop.portal.Session', {}, [('Close', '', '', '')])
    return answer(self, sender, options, {'session_handle': session})


@dbus.service.method(MAIN_IFACE, in_signature='oa{sv}', out_signature='o', sender_keyword='sender')
def SelectSources(self, session, options, sender):
    return answer(self, sender, options, {})


@dbus.service.method(MAIN_IFACE, in_signature='osa{sv}', out_signature='o', sender_keyword='sender')
def Start(self, session, parent, options, sender):
    streams = [(dbus.UInt32(node), dbus.Dictionary(signature='sv')) for node in self.streams]
    number = int(session.split("/")[-1])
    results = {'streams': streams, 'restore_token': f'token{number}'}
    return answer(self, sender, options, results, self.silent, int(0 < self.refuse_from <= number))


@dbus.service.method(MAIN_IFACE, in_signature='oa{sv}', out_signature='h')
def OpenPipeWireRemote(self, session, options):
    near, far = socket.socketpair()
    self.far_ends.append(far)
    return dbus.types.UnixFd(near)


@dbus.service.method(MOCK_IFACE, in_signature='u', out_signature='')
def Answer(self, response):
    respond(self, response, self.held)


@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='')
def End(self, what):
    if what == 'session':
        self.EmitSignalDetailed('org.freedesktop.portal.Session', 'Closed', 'a{sv}',
                                [dbus.Dictionary(signature='sv')], {'path': f'{MAIN_OBJ}/session/{self.sessions}'})
    else:
        for far in self.far_ends:
            far.close()
