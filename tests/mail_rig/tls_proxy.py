#!/usr/bin/python3
"""POP3 over implicit TLS with a certificate of its own, passed on to dovecot's plain port:
the same mailboxes behind a server whose certificate has changed.

  tls_proxy.py LISTEN_PORT TARGET_PORT CERT KEY
"""
import socket
import ssl
import sys
import threading


def pump(src, dst):
    try:
        while True:
            data = src.recv(65536)
            if not data:
                break
            dst.sendall(data)
    except OSError:
        pass
    for s in (src, dst):
        try:
            s.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


def serve(client, ctx, target):
    try:
        tls = ctx.wrap_socket(client, server_side=True)
        upstream = socket.create_connection(("127.0.0.1", target))
    except OSError:
        client.close()
        return
    threading.Thread(target=pump, args=(upstream, tls), daemon=True).start()
    pump(tls, upstream)


if __name__ == "__main__":
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(sys.argv[3], sys.argv[4])
    server = socket.create_server(("127.0.0.1", int(sys.argv[1])))
    while True:
        client, _ = server.accept()
        threading.Thread(target=serve, args=(client, ctx, int(sys.argv[2])), daemon=True).start()
