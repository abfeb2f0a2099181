#!/usr/bin/python3
"""A TCP proxy on 127.0.0.1 that holds back every piece the server sends by a fixed delay, as a
link with that round trip does (the benchmarks' slow SMTP server).

  delay_proxy.py LISTEN_PORT TARGET_PORT DELAY_MS
"""
import asyncio
import sys


async def pipe(reader, writer, delay):
    try:
        while True:
            data = await reader.read(65536)
            if not data:
                break
            if delay:
                await asyncio.sleep(delay)
            writer.write(data)
            await writer.drain()
    except (ConnectionError, asyncio.CancelledError):
        pass
    finally:
        writer.close()


async def main():
    listen, target, delay = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]) / 1000.0

    async def serve(client_reader, client_writer):
        try:
            server_reader, server_writer = await asyncio.open_connection("127.0.0.1", target)
        except OSError:
            client_writer.close()
            return
        # Replies come back late; what the client sends goes on at once.
        await asyncio.gather(pipe(client_reader, server_writer, 0),
                             pipe(server_reader, client_writer, delay))

    server = await asyncio.start_server(serve, "127.0.0.1", listen)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    asyncio.run(main())
