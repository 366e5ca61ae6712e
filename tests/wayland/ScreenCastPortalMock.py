'''python-dbusmock template: the desktop's screen-cast portal, which grants
every ask at once and keeps the calls made for the test to look at.

Parameters: "version" of the interface (4); "streams", the PipeWire nodes
that Start lists (one, 42); "silent": Start answers only when the test calls
Answer. Sessions are /org/freedesktop/portal/desktop/session/1, 2, ...;
Start's restore token is "token" and the session's number. HangUp closes
the far ends of the PipeWire connections handed out.
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
    mock.held = None
    mock.sessions = 0
    # The PipeWire connections' far ends, open so that the near ones stay up.
    mock.far_ends = []


def respond(mock, request, response, results):
    mock.EmitSignalDetailed('org.freedesktop.portal.Request', 'Response', 'ua{sv}',
                            [dbus.UInt32(response), results], {'path': request})


def answer(mock, sender, options, results, held=False):
    request = f'{MAIN_OBJ}/request/{sender[1:].replace(".", "_")}/{options["handle_token"]}'
    if held:
        mock.held = (request, results)
    else:
        # After the call's reply, as the desktop answers.
        GLib.idle_add(lambda: respond(mock, request, 0, results))
    return dbus.ObjectPath(request)


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
    streams = dbus.Array([(dbus.UInt32(node), dbus.Dictionary({}, signature='sv')) for node in self.streams],
                         signature='(ua{sv})')
    results = {'streams': streams, 'restore_token': f'token{session.split("/")[-1]}'}
    return answer(self, sender, options, results, self.silent)


@dbus.service.method(MAIN_IFACE, in_signature='oa{sv}', out_signature='h')
def OpenPipeWireRemote(self, session, options):
    near, far = socket.socketpair()
    self.far_ends.append(far)
    return dbus.types.UnixFd(near)


@dbus.service.method(MOCK_IFACE, in_signature='u', out_signature='')
def Answer(self, response):
    request, results = self.held
    respond(self, request, response, results)


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='')
def HangUp(self):
    for far in self.far_ends:
        far.close()
