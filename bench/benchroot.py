"""What the player benchmarks share: a scratch device root holding the
shipped skin and an empty music folder, and stopping a program in order."""
import os
import shutil
import subprocess
import tempfile


def make_device_root(prefix):
    """A new scratch folder with root/NAND Flash/skin (the repository's skin)
    and root/SDMMC Card/AUDIO; returns (work, root, audio)."""
    work = tempfile.mkdtemp(prefix=prefix)
    root = os.path.join(work, "root")
    audio = os.path.join(root, "SDMMC Card", "AUDIO")
    os.makedirs(audio)
    src = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    shutil.copytree(os.path.join(src, "skin"), os.path.join(root, "NAND Flash", "skin"))
    return work, root, audio


def stop(p):
    """SIGTERM, then SIGKILL when the program has not ended within 5 s."""
    p.terminate()
    try:
        p.wait(5)
    except subprocess.TimeoutExpired:
        p.kill()
        p.wait()
